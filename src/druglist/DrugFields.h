#pragma once

class TClientDataSet;

// Declares the 22 text fields of a drug record on `dataSet`, in record order.
void createDrugFields(TClientDataSet &dataSet);
