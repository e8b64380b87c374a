#pragma once
// A damaged medium for the tests: the data of a chosen file ends early while
// fstat still gives its whole size, or every read of it fails with EIO. The
// test program itself defines read() and copy_file_range(), which the code
// under test then calls in place of the C library's; files not chosen pass
// through untouched.

#include <sys/types.h>

#include <string>

namespace damaged {

// Reads of `path` (the file it is now: device and inode) give no data past `end`.
void EndsAt(const std::string& path, off_t end);
// Reads of `path` fail with EIO.
void FailsToRead(const std::string& path);
// Every file reads as it is again.
void HealAll();

}  // namespace damaged
