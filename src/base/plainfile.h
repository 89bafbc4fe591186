// Reading what lies outside the program: every reader of a file the game did
// not write itself goes through here. Only a plain file is read, never more
// than the caller can use, and never blocking: a fifo or a device put in a
// file's place must not hang the game.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

constexpr int NotPlainFile = EINVAL;

// Opens `path` for reading when it is a plain file, and gives its size. The
// descriptor is the caller's to close; -1 when the path is missing, is no
// plain file or cannot be opened, with errno saying which (NotPlainFile for
// a directory, a fifo or a device).
int OpenPlainFile(const char* path, uint64_t* size);

// The same as a stream to read with stdio; null (errno set) as above.
std::FILE* OpenPlainStream(const char* path, uint64_t* size);
// Moves the stream to byte `pos` from the start; false when it cannot.
bool SeekStream(std::FILE* file, uint64_t pos);

// Reads at most `capacity` bytes from the start of the plain file at `path`.
// False (errno set) when it is missing, is no plain file or a read fails;
// `*got` is then 0.
bool ReadPlainFile(const char* path, unsigned char* bytes, size_t capacity, size_t* got);

// The same into `out`, for files whose size is not known beforehand: at most
// `limit` bytes, never allocating more than the file holds.
bool ReadPlainFile(const char* path, size_t limit, std::vector<unsigned char>* out);

// Opens `path` for writing from the start, emptied, for a file the player
// named: a new file is made there; what is there already is used only when it
// is a plain file, never a fifo (which would hold the game until someone
// reads it) or a device. The descriptor is the caller's to close; -1 with
// errno set (NotPlainFile for what is no plain file), and then nothing there
// was touched.
int CreatePlainFile(const char* path);
// The same as a stdio stream for writing; null with errno set.
std::FILE* CreatePlainStream(const char* path);

// Writes all `size` bytes to `fd`, going on after a signal; false (errno set)
// when the system refuses or takes nothing.
bool WriteAll(int fd, const void* bytes, size_t size);
