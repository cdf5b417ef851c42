#pragma once

#include "platform/Exception.h"

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

// Reads the nodes of a filter stream into the criteria's root (already cleared), adding each
// node as soon as it is whole. Throws EReadError at the first fault; what was added stays.
void readFilterStream(TcxFilterCriteria &criteria, std::string_view bytes);

// The criteria's tree in the filter stream format. Throws EWriteError.
std::string writeFilterStream(const TcxFilterCriteria &criteria);
