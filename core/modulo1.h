// The editing procedures of the control: date editing and number editing.
// They keep no state: they read and write the text box's Text, SelStart and
// SelLength directly and swallow (set to 0) the keys they act on.
#pragma once

#include "date/date_editing.h"
#include "number/number_editing.h"
