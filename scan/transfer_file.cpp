#include "scan/transfer_file.h"

#include <windows.h>

// A file that cannot be deleted (held open by another program, say) is at
// least emptied, so no reader takes it for a page.
PartialTransferFile::~PartialTransferFile() {
    if (!owned_ || path_ == nullptr) return;
    if (DeleteFileA(path_)) return;
    HANDLE file = CreateFileA(path_, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}
