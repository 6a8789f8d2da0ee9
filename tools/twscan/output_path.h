// Output paths as the user typed them and as Windows opens them, and the
// check that one can be written before anything is scanned.
#pragma once

#include <string>

// Under Wine a path typed with '/' is a Unix path: it becomes the Windows
// path of the same file. Anything else is used as it is.
std::string WindowsPath(const std::string& typed);
// Throws a TwscanError (exit code 9) naming 'typed' and the reason when the
// file cannot be created or overwritten. Leaves an existing file untouched.
void CheckWritable(const std::string& typed);
// The reason of a Windows error in words: "permission denied" and the like.
std::string WindowsErrorText(unsigned long error);

// A temporary file, removed with the object.
class TempFile {
   public:
    TempFile();
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& Path() const { return path_; }

   private:
    std::string path_;
};
