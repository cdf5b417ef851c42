#pragma once

class QWidget;
class TcxGrid;

// The drug list as the main window declares it: a grid over the drug list's columns, the
// names shown, captioned "药品列表", 217 wide and sorted ascending, the other columns hidden.
TcxGrid *newDrugListGrid(QWidget *parent);
