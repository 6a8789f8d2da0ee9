// The file a file transfer writes, while it is not yet whole: a transfer that
// fails or is cancelled must not leave behind a BMP whose header claims an
// image it does not hold.
#pragma once

class PartialTransferFile {
   public:
    // Nothing is owned until Created; `path` must outlive the object.
    explicit PartialTransferFile(const char* path) : path_(path) {}
    ~PartialTransferFile();
    PartialTransferFile(const PartialTransferFile&) = delete;
    PartialTransferFile& operator=(const PartialTransferFile&) = delete;

    // The transfer has created the file (or replaced an older one): from now on it is ours to remove.
    void Created() { owned_ = true; }
    // Every row has been written: the file stays.
    void Complete() { owned_ = false; }

   private:
    const char* path_;
    bool owned_ = false;
};
