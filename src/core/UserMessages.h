#pragma once
// The program's message boxes (an OK button, no title), behind a seam so that
// the core can report without a display and tests can read what was said.

#include <QString>

class UserMessages
{
public:
    virtual ~UserMessages() = default;
    virtual void show(const QString& text) = 0;
    // A question with Yes and No, No the default; true for Yes.
    virtual bool confirm(const QString& question) = 0;
};
