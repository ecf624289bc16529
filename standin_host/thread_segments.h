// Where this machine's kernel cannot run 32-bit programs, Wine's 32-bit side
// runs under qemu's user-mode emulator, which keeps one table of thread-local
// segment descriptors for all threads: every new thread points the entries
// behind %fs (Wine's TEB) and %gs (the C library's thread data) at its own.
// A signal then reloads an older thread's segments from there, and Wine
// completes socket operations with a signal, so after the first dialog (whose
// threads come and go) the filter's HTTP request to JOSM crashed or hung.
//
// RepairThreadSegments points both entries back at the calling thread's own
// blocks. The host calls it right before every call into the filter; on a
// real kernel the entries are per thread and this rewrites what they hold.
#pragma once

namespace standin {

void RepairThreadSegments();

}  // namespace standin
