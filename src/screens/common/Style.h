#pragma once

class QTableView;
class QTreeView;
class QWidget;
class QLineEdit;

// One look for every grid and list of the system, and the small window
// helpers the screens share.
namespace Module1 {

// Twips as the screens are measured in, 15 to the pixel.
constexpr int kTwipsPerPixel = 15;

// Grids and lists of items or of a model (long query results) alike.
void StyleFlexGrid(QTableView* grid);
void StyleListView(QTreeView* list);

// Left centred, top at one eighth of the free height; nothing when maximised.
// A frame in the work area centres in the work area, never above or left of it.
void CenterForm(QWidget* form);
// Centres the screen by CenterForm when it is first shown: its frame when
// it stands in the work area, itself when it is a window of its own.
void CenterOnFirstShow(QWidget* screen);

// Makes an identifier box pass its typed keys through FilterIdKey.
void InstallIdKeyFilter(QLineEdit* box);

} // namespace Module1
