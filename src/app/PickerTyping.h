#pragma once

class QDateTimeEdit;

namespace tovrel {

// Lets a date or time be typed into a picker as it is written ("2024-03-01", "23:59:00"), also
// over its selected text. Left alone, the picker takes a key typed over a selection of several
// parts as an edit of the whole text and keeps the first part's old value, and a separator typed
// right after a part that filled up (and so moved on by itself) skips the next part. A click into
// the text selects the part it lands in, so what is typed next replaces that part; Shift held for
// a ':' changes nothing of this. Arrows, the wheel and the calendar work as before.
void acceptTypedValues(QDateTimeEdit *picker);

} // namespace tovrel
