// The data folder tree of the set-up dialog.

#include "FolderTree.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>

FolderTree::FolderTree(QWidget* parent) : QTreeView(parent), model_(new QFileSystemModel(this))
{
    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setRootPath(QString()); // the computer's top level
    setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column) {
        hideColumn(column);
    }
    header()->hide();
    // Folders load in the background: show the selected one once its parents are there.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this] {
        if (currentIndex().isValid()) {
            scrollTo(currentIndex());
        }
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) {
                    emit folderSelected(QDir::toNativeSeparators(model_->filePath(current)),
                                        !settingFromCode_);
                }
            });
}

void FolderTree::setSelectedFolder(const QString& path)
{
    const QModelIndex index = model_->index(QDir::cleanPath(QDir::fromNativeSeparators(path)));
    if (!index.isValid()) {
        return;
    }
    settingFromCode_ = true;
    setCurrentIndex(index);
    settingFromCode_ = false;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) {
        expand(up);
    }
    scrollTo(index);
}

QString FolderTree::selectedFolder() const
{
    return currentIndex().isValid() ? QDir::toNativeSeparators(model_->filePath(currentIndex()))
                                    : QString();
}
