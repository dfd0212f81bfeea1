#pragma once

// Where a change to the configuration was made: the wizard page and what it
// showed of its steps. Undo and redo show that place again.
struct EditPlace {
    int page = -1;
    int subStep = 0;
    bool review = false;  // a point page showed its review
    bool operator==(const EditPlace &) const = default;
};
