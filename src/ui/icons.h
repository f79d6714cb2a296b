#pragma once
// The image provider: pictures for the icon names that the file-type database keeps in its
// image lists, the state overlays, the toolbar pictures and the program's own icon.
//
// Names beginning with "trawler-" are the program's own pictures (SVG in the resource file,
// ":/icons/NAME.svg"); every other name is a freedesktop icon-theme name. A theme that lacks
// a name falls back to a generic picture, never to nothing.
#include <QIcon>
#include <string>

class TFileDb;

// Registers the resource file of the windows and sets the program's language for what the
// desktop describes (call once before the first window).
void InitUiResources();

// The picture of an icon name; a generic document picture when nothing provides it.
QIcon IconFor(const std::string &name);
// Pictures of the image lists of the file-type database, by index (out of range: the
// unknown-file picture).
QIcon SmallImage(TFileDb &database, int index);
QIcon LargeImage(TFileDb &database, int index);
// The state picture of an index; a null icon for 0 and indices out of range.
QIcon StateImage(TFileDb &database, int index);
// The icon with the state picture drawn over its lower-left quarter, at the given size.
QIcon WithState(const QIcon &icon, const QIcon &state, int size);

// The toolbar pictures of the main and folder windows, by the button's name ("SBtn1" …).
QIcon ToolbarIcon(const QString &buttonName);
// The program's own icon.
QIcon ProgramIconPicture();
