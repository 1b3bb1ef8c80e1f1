#pragma once

#include "s7access/S7Rule.h"

class QTabWidget;
class S7GridView;

// Takes the user to a rule's cell after a fault: the grid's page is shown, the rule's row
// selected, the current cell put on the field's column and scrolled into view, and the grid
// takes the focus. `row` is 1-based, as messages name it.
void Show_Rule_Cell(QTabWidget &pages, S7GridView &view, int row, S7Rule::Field field);
