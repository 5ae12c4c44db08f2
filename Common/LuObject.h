// TObject: the one root of every class hierarchy with virtual operations that is shared between
// units: the UI toolkit's components (the sender of every event) and the persistent objects both
// derive from it, so that a program using the two has one type of that name.
#pragma once

class TObject {
public:
    virtual ~TObject() = default;
};
