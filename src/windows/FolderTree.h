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

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void reveal();

    QFileSystemModel* model_;
    QString pending_; // the folder set from code, shown until the operator picks one
    bool settingFromCode_ = false;
};
