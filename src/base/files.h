// The few things the game asks of the file system beyond reading and
// writing a stream: directories, links, durable writes and renames. Plain
// functions over paths and descriptors, each one system call or two, so
// that the rules of where files go stay with the code that owns them. Each
// sets errno when it fails.
#pragma once

#include <cstddef>
#include <string>

// What is at `path`, following links.
bool IsDirectory(const char* path);
bool IsPlainFileAt(const char* path);
// The same file or directory (the same device and inode).
bool SameFile(const char* a, const char* b);
// Something is at `path`, even a link to nothing; false with errno (ENOENT
// when nothing is).
bool AnythingAt(const char* path);
// `path` is a symbolic link; `*target` is what it holds.
bool IsSymlink(const char* path);
bool ReadSymlink(const char* path, std::string* target);
// A new symbolic link `link` holding `target`; fails when `link` exists.
bool MakeSymlink(const char* target, const char* link);
// A second name `to` for the file `from`; fails when `to` exists.
bool MakeHardLink(const char* from, const char* to);
// The absolute path without links, or empty.
std::string ResolvedPath(const char* path);
// A new directory, readable by all (`shared`) or by whoever the umask lets.
bool MakeDirectory(const char* path, bool shared);
// A new, empty directory of its own made from `prefix` (a path ending in
// the start of its name), its path in `*made`.
bool MakeScratchDirectory(const std::string& prefix, std::string* made);
// Removes the file (never a directory) at `path`.
bool RemoveFile(const char* path);
// A number that tells this process from the others running now.
long ProcessNumber();

// Locks the directory at `path` for this process, waiting for another
// holder when `wait`, else failing at once; the lock is held until
// UnlockDirectory. -1 when it is not a directory of this user's own (a link
// is never followed), or is held elsewhere and `wait` is false.
int LockOwnDirectory(const char* path, bool wait);
void UnlockDirectory(int lock);

// Descriptors for writing a file durably: make, write, sync, close, rename.
// A new file of its own at a fresh name from `prefix`, readable by all; its
// path in `*made`, or -1.
int CreateUniqueFile(const std::string& prefix, std::string* made);
// Whatever is at `path` goes, and a new file takes its place, never a link
// to somewhere else; -1 when it cannot.
int CreateFreshFile(const char* path);
// Gives the new file at `fd` the permissions of the plain file at `path`, if any.
void KeepPermissions(int fd, const char* path);
// One write of at most `size` bytes, whatever it takes; for making a full
// disk happen in tests.
void WritePart(int fd, const void* bytes, size_t size);
bool SyncFile(int fd);
bool CloseFile(int fd);
// Makes a rename in `directory` last across a power cut, where it can.
void SyncDirectory(const char* directory);
// Where the files live in memory and are kept somewhere else (the browser's
// storage), the platform hears of each directory made to last, and makes it
// last there before SyncDirectory returns. None by default.
using DirectorySyncHook = void (*)(const char* directory);
void SetDirectorySyncHook(DirectorySyncHook hook);
