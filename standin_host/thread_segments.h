// Where this machine's kernel cannot run 32-bit programs, Wine's 32-bit side
// runs under qemu's user-mode emulator, which keeps one table of thread-local
// segment descriptors for all threads: every new thread points the entries
// behind %fs (Wine's TEB) and %gs (the C library's thread data) at its own.
// A signal then reloads an older thread's segments from there, and Wine uses
// a signal to complete I/O on a thread that is busy. So once another thread
// had started (a dialog watcher, COM's RPC server), the filter's request to
// JOSM, or a file dialog's volume query, crashed or hung the calling thread.
//
// The host therefore points the entries back at its own thread right before
// every call into the filter, and starts COM's RPC server before the first
// call, so that no thread starts inside a call (the first file dialog would
// start it otherwise). On a real kernel the entries are per thread and the
// repair rewrites what they already hold.
#pragma once

namespace standin {

// Points the entries at the calling thread's own TEB and thread data.
void RepairThreadSegments();

// Starts COM's RPC server thread, as an editor's own use of COM would.
void StartComServerThread();

}  // namespace standin
