#pragma once
// The program's message boxes (an OK button, no title), behind a seam so that
// the core can report without a display and tests can read what was said.

#include <QString>
#include <QStringList>

class UserMessages
{
public:
    virtual ~UserMessages() = default;
    virtual void show(const QString& text) = 0;
};

class RecordedMessages final : public UserMessages
{
public:
    void show(const QString& text) override { shown.append(text); }
    QStringList shown;
};
