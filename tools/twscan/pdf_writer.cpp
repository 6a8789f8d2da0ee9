// PDF writing: header, per page an image, its length, its content and the
// page itself; at the end the page tree, the catalogue and the xref table.
#include "tools/twscan/pdf_writer.h"

#include <cerrno>
#include <cstring>

namespace {

// Objects 1 and 2 are the catalogue and the page tree, written last.
constexpr int CatalogObject = 1;
constexpr int PagesObject = 2;

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    std::string s = text;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

}  // namespace

std::string FileErrorText(int error) {
    switch (error) {
        case ENOSPC:
            return "the disk is full";
        case EACCES:
        case EPERM:
            return "permission denied";
        case ENOENT:
            return "the folder does not exist";
        case EROFS:
            return "the file system is read-only";
        default:
            return std::strerror(error);
    }
}

PdfWriter::~PdfWriter() {
    if (file_ != nullptr) std::fclose(file_);
}

bool PdfWriter::Put(const std::string& text, std::string* error) {
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        *error = "cannot write " + path_ + ": " + FileErrorText(errno);
        return false;
    }
    offset_ += text.size();
    return true;
}

int PdfWriter::NewObject() {
    objectOffsets_.push_back(0);
    return static_cast<int>(objectOffsets_.size());
}

bool PdfWriter::StartObject(int number, std::string* error) {
    objectOffsets_[static_cast<size_t>(number - 1)] = offset_;
    return Put(std::to_string(number) + " 0 obj\n", error);
}

bool PdfWriter::Open(const std::string& path, std::string* error) {
    path_ = path;
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        *error = "cannot create " + path + ": " + FileErrorText(errno);
        return false;
    }
    NewObject();
    NewObject();
    // The second line's high bytes tell tools that the file is binary.
    return Put("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n", error);
}

bool PdfWriter::BeginPage(const PdfImage& image, std::string* error) {
    image_ = image;
    imageObject_ = NewObject();
    const int lengthObject = imageObject_ + 1;
    NewObject();
    std::string head = "<< /Type /XObject /Subtype /Image /Width " + std::to_string(image.width) +
                       " /Height " + std::to_string(image.height) + " /ColorSpace " +
                       (image.colour ? "/DeviceRGB" : "/DeviceGray") + " /BitsPerComponent " +
                       std::to_string(image.bitsPerComponent) + " /Filter " +
                       (image.jpeg ? "/DCTDecode" : "/FlateDecode") + " /Length " +
                       std::to_string(lengthObject) + " 0 R >>\nstream\n";
    if (!StartObject(imageObject_, error) || !Put(head, error)) return false;
    streamStart_ = offset_;
    return true;
}

bool PdfWriter::ImageBytes(const uint8_t* data, size_t size, std::string* error) {
    if (size == 0) return true;
    if (std::fwrite(data, 1, size, file_) != size) {
        *error = "cannot write " + path_ + ": " + FileErrorText(errno);
        return false;
    }
    offset_ += size;
    return true;
}

bool PdfWriter::EndPage(std::string* error) {
    const uint64_t length = offset_ - streamStart_;
    if (!Put("\nendstream\nendobj\n", error)) return false;
    if (!StartObject(imageObject_ + 1, error) || !Put(std::to_string(length) + "\nendobj\n", error))
        return false;
    // The page is the scanned size: pixels over dots per inch, in points.
    const double width = image_.width * 72.0 / (image_.dpiX > 0 ? image_.dpiX : 72.0);
    const double height = image_.height * 72.0 / (image_.dpiY > 0 ? image_.dpiY : 72.0);
    const std::string content = "q " + Number(width) + " 0 0 " + Number(height) + " 0 0 cm /Im0 Do Q\n";
    const int contentObject = NewObject();
    if (!StartObject(contentObject, error) || !Put("<< /Length " + std::to_string(content.size()) +
                                                       " >>\nstream\n" + content + "endstream\nendobj\n",
                                                   error))
        return false;
    const int pageObject = NewObject();
    pageObjects_.push_back(pageObject);
    return StartObject(pageObject, error) &&
           Put("<< /Type /Page /Parent " + std::to_string(PagesObject) + " 0 R /MediaBox [0 0 " +
                   Number(width) + " " + Number(height) + "] /Resources << /XObject << /Im0 " +
                   std::to_string(imageObject_) + " 0 R >> >> /Contents " + std::to_string(contentObject) +
                   " 0 R >>\nendobj\n",
               error);
}

bool PdfWriter::Finish(std::string* error) {
    std::string kids;
    for (int page : pageObjects_) kids += std::to_string(page) + " 0 R ";
    if (!StartObject(PagesObject, error) || !Put("<< /Type /Pages /Kids [" + kids + "] /Count " +
                                                     std::to_string(pageObjects_.size()) + " >>\nendobj\n",
                                                 error))
        return false;
    if (!StartObject(CatalogObject, error) ||
        !Put("<< /Type /Catalog /Pages " + std::to_string(PagesObject) + " 0 R >>\nendobj\n", error))
        return false;
    const uint64_t xref = offset_;
    std::string table = "xref\n0 " + std::to_string(objectOffsets_.size() + 1) + "\n0000000000 65535 f \n";
    for (uint64_t at : objectOffsets_) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", static_cast<unsigned long long>(at));
        table += entry;
    }
    table += "trailer\n<< /Size " + std::to_string(objectOffsets_.size() + 1) + " /Root " +
             std::to_string(CatalogObject) + " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    if (!Put(table, error)) return false;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed) {
        *error = "cannot write " + path_ + ": " + FileErrorText(errno);
        return false;
    }
    return true;
}
