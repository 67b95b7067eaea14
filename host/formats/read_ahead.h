// A book's files read and parsed ahead of its walk, on a thread of their own.
//
// When a walk opens a file component of an open book, the files that follow it in the book go to
// a worker thread. The worker reads and parses each into a session of its own, ahead of the walk.
// Open of a file the worker has read takes it; of one it is reading, reads the next files that no
// one has begun into sessions of their own meanwhile (so that a walk that does little per file
// shares the reading rather than wait), then takes it. The session adopts each document
// (Session::AdoptDocument), so that its ids and everything else come out as a read on the walk's
// own thread would make them, in the book's order. Any other open reads the file
// itself, as does one whose read failed or depended on the session (Open in open.cpp decides).
// Files read ahead that the walk does not ask for are dropped when the book closes or the walk
// moves past them; the worker ends with the book, or with the session.
#pragma once

#include "host/model/model.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace lxhost {

// How far the files read ahead may run ahead of the walk: at most this many wait, read, for the
// walk to ask for them, and the files they were read from take at most this many bytes in all
// (one waits, whatever its size). Each waits as a whole document: this bounds the memory they take.
constexpr std::size_t kFilesReadAhead = 64;
constexpr std::uintmax_t kBytesReadAhead = std::uintmax_t{2} << 20;

// Whether books are read ahead: when more than one processor is available to the process (a run
// pinned to one has no thread that could only wait), unless LEXAMETER_THREADS is 1 (any other
// number, or none, leaves it to the processors).
bool ReadAheadWanted();

// The document that the read-ahead made of the file (an absolute path), moved into the session,
// once its read has ended. 0 when the caller reads the file itself: no worker has it, or the read
// failed (the walk gets the error, and the ids taken, from its own read), made a book, read files
// through XIncludes (what those give depends on what the session read before), or the file
// changed since. A file component of an open book that no worker has starts one over the files
// that follow it in the book.
ObjectId OpenReadAhead(Session& session, const std::string& full);

// How many documents the session took from the read-ahead; with onWalkOnly, how many of them
// the walk's own thread read ahead while the worker was busy with the file it asked for.
std::size_t FilesTakenAhead(Session& session, bool onWalkOnly = false);

} // namespace lxhost
