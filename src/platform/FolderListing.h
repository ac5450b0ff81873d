#pragma once

#include <QList>
#include <QString>

// What a folder holds, read straight from the file system.
namespace FolderListing {

struct Entry {
    QString name;
    bool isDir = false;
    qint64 bytes = 0;  // allocated on disk; 0 for folders and unreadable entries
};

// The entries of `path`, without "." and "..", in the file system's order.
// Links are listed as themselves, never followed. Empty when the folder
// can't be opened. Folders are told apart without a stat call where the file
// system says so.
QList<Entry> entries(const QString &path);

}  // namespace FolderListing
