// The data folder tree of the set-up dialog.

#include "FolderTree.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>

namespace {

QString withSlash(const QString& folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeView(parent), model_(new QFileSystemModel(this))
{
    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setRootPath(QString()); // the computer's top level
    setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column) {
        hideColumn(column);
    }
    header()->hide();
    // Folders load in the background, each level after the one above it,
    // and a level that comes in may leave the path's own rows behind: until
    // the operator picks a folder, the chosen one is shown again as each
    // level of its path arrives.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        if (!pending_.isEmpty() && (pending_ == loaded || pending_.startsWith(withSlash(loaded)))) {
            reveal();
        }
    });
    // Each level is sorted after it has loaded, which moves the rows.
    connect(model_, &QAbstractItemModel::layoutChanged, this, [this] {
        if (!pending_.isEmpty() && currentIndex().isValid()) {
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
    pending_ = QDir::cleanPath(QDir::fromNativeSeparators(path));
    reveal();
}

void FolderTree::reveal()
{
    const QModelIndex index = model_->index(pending_);
    if (!index.isValid()) {
        pending_.clear(); // no such folder: nothing is selected
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

void FolderTree::mousePressEvent(QMouseEvent* e)
{
    pending_.clear(); // the operator's choice from now on
    QTreeView::mousePressEvent(e);
}

void FolderTree::keyPressEvent(QKeyEvent* e)
{
    pending_.clear();
    QTreeView::keyPressEvent(e);
}

QString FolderTree::selectedFolder() const
{
    return currentIndex().isValid() ? QDir::toNativeSeparators(model_->filePath(currentIndex()))
                                    : QString();
}
