#pragma once

#include "criteria/cxFilterCriteria.h"

// The filter builder's own criteria: a condition's column is the list column's ID itself, so
// the tree travels to and from the list's criteria through the stream unchanged.
class TcxFilterControlCriteria : public TcxFilterCriteria
{
public:
    TcxFilterControlCriteria() = default;
};
