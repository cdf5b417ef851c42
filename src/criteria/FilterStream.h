#pragma once

#include "platform/Exception.h"

#include <cstddef>
#include <string>
#include <string_view>

class TcxFilterCriteria;

// A filter stream that is damaged, ends early or claims more than it holds.
class EReadError : public Exception
{
public:
    EReadError() : Exception("Stream read error") {}
};

// A value that the filter stream cannot hold.
class EWriteError : public Exception
{
public:
    EWriteError() : Exception("Stream write error") {}
};

// Groups nest at most this deep in a stream, and so do arrays inside a value. Deeper
// nesting is refused as damage when read and as a value the stream cannot hold when
// written: no filter anyone builds comes near it, and reading it would take the stack.
constexpr int cxFilterStreamMaxDepth = 1000;

// Filter files are read whole, and only up to this size. A filter that anyone builds in the
// dialogs takes well under a kilobyte; a hundred conditions, each holding the longest text a
// drug field takes (1024 bytes) as both its value and its display text, stay below a quarter
// of a megabyte. The bound is not much higher because the file decides what the reader
// builds: an array of nulls, one byte each in the stream, costs a few hundred bytes of memory
// per byte of the file, so a file at the bound takes about a quarter of a gigabyte and a
// quarter of a second, and no more.
constexpr std::size_t cxFilterFileMaxSize = std::size_t(1) << 20;

// The filter stream held by the ".flt" file at `path`, read as the filter builder opens it:
// only a regular file of at most cxFilterFileMaxSize bytes. Throws Exception with the message
// for the error box.
std::string readFilterFile(const std::string &path);

// Reads the nodes of a filter stream into the criteria's root (already cleared), adding each
// node as soon as it is whole. Throws EReadError at the first fault; what was added stays.
void readFilterStream(TcxFilterCriteria &criteria, std::string_view bytes);

// The criteria's tree in the filter stream format. Throws EWriteError.
std::string writeFilterStream(const TcxFilterCriteria &criteria);
