#include "scan/announced_image.h"

#include "scan/image_info.h"

namespace {

struct Announcement {
    bool made;
    TW_INT32 width;
    TW_INT32 length;
    TW_INT16 bitsPerPixel;
};
Announcement announced;

}  // namespace

void AnnounceImage(const TW_IMAGEINFO& info) {
    announced = {true, info.ImageWidth, info.ImageLength, info.BitsPerPixel};
}

void ForgetAnnouncedImage() { announced = {}; }

bool MatchesAnnouncedImage(const ScanSettings& scan, int32_t resolutionIndex) {
    if (!announced.made) return true;
    TW_IMAGEINFO now;
    FillImageInfo(scan, resolutionIndex, &now);
    return now.ImageWidth == announced.width && now.ImageLength == announced.length &&
           now.BitsPerPixel == announced.bitsPerPixel;
}
