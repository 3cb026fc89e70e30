#pragma once
// A tree of the computer's folders, rooted at its top level, with a selected
// folder that can be set from a path and an event when one is selected.

#include <QTreeView>

class QFileSystemModel;

class FolderTree final : public QTreeView
{
    Q_OBJECT

public:
    explicit FolderTree(QWidget* parent = nullptr);

    // Selects, expands to and shows the folder; an absent one selects nothing.
    void setSelectedFolder(const QString& path);
    QString selectedFolder() const;

signals:
    // byOperator is false when the selection was set from code.
    void folderSelected(const QString& path, bool byOperator);

private:
    QFileSystemModel* model_;
    bool settingFromCode_ = false;
};
