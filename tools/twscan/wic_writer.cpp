// WIC encoders behind twscan's PNG, TIFF and JPEG output.
#include "tools/twscan/wic_writer.h"

#include <wincodec.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "tools/twscan/output_path.h"
#include "tools/twscan/twscan_error.h"

namespace {

template <typename T>
void Release(T*& object) {
    if (object != nullptr) object->Release();
    object = nullptr;
}

std::wstring Wide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

// Standard output as a stream that only goes forward: enough for the PNG and
// JPEG encoders, which write their data in order.
class StandardOutputStream : public IStream {
   public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IStream) ||
            IsEqualIID(id, IID_ISequentialStream)) {
            *object = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override {
        DWORD done = 0;
        const BOOL ok = WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), data, size, &done, nullptr);
        if (written != nullptr) *written = done;
        position_ += done;
        return ok && done == size ? S_OK : HRESULT_FROM_WIN32(GetLastError());
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override {
        // Asking where we are is fine; going anywhere else is not possible.
        const bool stay = move.QuadPart == 0 && origin == STREAM_SEEK_CUR;
        const bool here = origin == STREAM_SEEK_SET && static_cast<ULONGLONG>(move.QuadPart) == position_;
        if (!stay && !here) return STG_E_INVALIDFUNCTION;
        if (now != nullptr) now->QuadPart = position_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        std::memset(stat, 0, sizeof *stat);
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = position_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

   private:
    virtual ~StandardOutputStream() = default;
    LONG references_ = 1;
    ULONGLONG position_ = 0;
};

const GUID& ContainerOf(OutputFormat format) {
    switch (format) {
        case OutputFormat::Tiff:
            return GUID_ContainerFormatTiff;
        case OutputFormat::Jpeg:
            return GUID_ContainerFormatJpeg;
        default:
            return GUID_ContainerFormatPng;
    }
}

}  // namespace

ComScope::ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
ComScope::~ComScope() {
    if (initialised_) CoUninitialize();
}

void WicFile::Check(long result, const char* what) const {
    if (SUCCEEDED(result)) return;
    std::string reason;
    if (HRESULT_FACILITY(result) == FACILITY_WIN32) {
        reason = WindowsErrorText(HRESULT_CODE(result));
    } else {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(result));
        reason = std::string("imaging component error ") + code;
    }
    throw TwscanError(ExitOutput, std::string("cannot write '") + typed_ + "' (" + what + "): " + reason);
}

WicFile::WicFile(OutputFormat format, const std::string& path, const std::string& typed, int quality)
    : format_(format), typed_(typed), quality_(quality) {
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(&factory_)),
          "no imaging component");
    if (path == StandardOutputPath) {
        stream_ = new StandardOutputStream;
    } else {
        IWICStream* file = nullptr;
        Check(factory_->CreateStream(&file), "stream");
        stream_ = file;
        Check(file->InitializeFromFilename(Wide(path).c_str(), GENERIC_WRITE), "create");
    }
    Check(factory_->CreateEncoder(ContainerOf(format), nullptr, &encoder_), "encoder");
    Check(encoder_->Initialize(stream_, WICBitmapEncoderNoCache), "encoder");
}

WicFile::~WicFile() {
    Release(frame_);
    Release(encoder_);
    Release(stream_);
    Release(factory_);
}

void WicFile::BeginFrame(const PageFormat& page) {
    page_ = page;
    rowsWritten_ = 0;
    IPropertyBag2* options = nullptr;
    Check(encoder_->CreateNewFrame(&frame_, &options), "new page");
    if (format_ == OutputFormat::Jpeg && options != nullptr) {
        PROPBAG2 name{};
        name.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_R4;
        value.fltVal = static_cast<float>(quality_) / 100.0f;
        options->Write(1, &name, &value);
    }
    const HRESULT started = frame_->Initialize(options);
    if (options != nullptr) options->Release();
    Check(started, "page");
    Check(frame_->SetSize(page.width, page.height), "page size");
    if (page.dpiX > 0 && page.dpiY > 0) Check(frame_->SetResolution(page.dpiX, page.dpiY), "resolution");
    expandBits_ = page.bits == 1 && format_ == OutputFormat::Jpeg;
    const GUID wanted = page.bits == 24                 ? GUID_WICPixelFormat24bppBGR
                        : page.bits == 8 || expandBits_ ? GUID_WICPixelFormat8bppGray
                                                        : GUID_WICPixelFormatBlackWhite;
    GUID pixels = wanted;
    Check(frame_->SetPixelFormat(&pixels), "pixel format");
    if (!IsEqualGUID(pixels, wanted)) {
        throw TwscanError(ExitOutput, std::string("the ") + FormatName(format_) +
                                          " encoder of this system does not take " +
                                          std::to_string(page.bits) + "-bit pixels; choose another format");
    }
    if (expandBits_) expanded_.reset(new uint8_t[page.width]);
}

void WicFile::Rows(const uint8_t* rows, uint32_t count, uint32_t stride) {
    if (!expandBits_) {
        Check(frame_->WritePixels(count, stride, stride * count, const_cast<BYTE*>(rows)), "rows");
    } else {
        for (uint32_t r = 0; r < count; ++r) {
            const uint8_t* bits = rows + uint64_t{r} * stride;
            for (uint32_t x = 0; x < page_.width; ++x)
                expanded_[x] = (bits[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
            Check(frame_->WritePixels(1, page_.width, page_.width, expanded_.get()), "rows");
        }
    }
    rowsWritten_ += count;
}

void WicFile::EndFrame() {
    // A page cut short still gets its announced height, in white.
    if (rowsWritten_ < page_.height) {
        const uint32_t stride = CanonicalRowBytes(page_.width, page_.bits);
        std::unique_ptr<uint8_t[]> blank(new uint8_t[stride]);
        std::memset(blank.get(), 0xff, stride);
        while (rowsWritten_ < page_.height) Rows(blank.get(), 1, stride);
    }
    Check(frame_->Commit(), "page end");
    Release(frame_);
}

void WicFile::Commit() {
    Check(encoder_->Commit(), "file end");
    IStream* stream = stream_;
    if (stream != nullptr) stream->Commit(STGC_DEFAULT);
}
