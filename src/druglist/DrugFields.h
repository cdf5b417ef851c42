#pragma once

#include <span>

class TClientDataSet;

// One field of the drug record as the data set declares it.
struct TDrugField
{
    const char *fieldName;
    const char *displayLabel; // UTF-8
    int size;                 // 0: none declared, the string field's default
};

// The 22 fields in record order.
std::span<const TDrugField> drugFields();
// The most bytes a value of the field holds when written.
int byteWidth(const TDrugField &field);

// Declares the 22 text fields of a drug record on `dataSet`, in record order.
void createDrugFields(TClientDataSet &dataSet);
