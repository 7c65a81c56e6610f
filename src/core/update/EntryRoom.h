#pragma once

#include <QString>

namespace modZip {
struct PackageListing;
}

// Whether every entry of a package still has a name the file system takes
// once it stands in the install's own folders. The package's own check
// bounds the names alone; the staging and backup folders inside the program
// folder make every path longer by their own path.
namespace update {

// The install's longest folder for the entries under folder (the backup
// folder, with its trailing "/").
QString longestInstallFolder(const QString& folder);

// The empty text when every file and folder of the listing fits under the
// install's folders in folder; else which entry does not, and by how much.
QString entryRoomError(const QString& folder, const modZip::PackageListing& list);

} // namespace update
