#pragma once

#include <QString>

// Where a command shows its result: the main window's information list, or the command-line
// front end. Lines may carry the "#1"/"#2"/"#3" status prefixes.
class CInfoView {
public:
    virtual ~CInfoView() = default;
    virtual void Clear() = 0;
    // Adds the text; every line feed starts a new line.
    virtual void AddText(const QString& text) = 0;
};
