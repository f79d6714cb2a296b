#pragma once
// The program's help: Japanese HTML pages shown in a help window, reached by topic number.
#include <QString>
#include <QUrl>

class QWidget;

// Opens (or raises) the help window at the page or anchor of a help topic; an unknown topic
// shows the contents page.
void ShowHelpTopic(int topic);
// Opens (or raises) the help window at the contents page.
void ShowHelpContents();
// The box with the program's name and version.
void ShowAboutBox(QWidget *parent);

// The folder that holds the help pages, ending with "/": the folder named by the environment
// variable TRAWLER_HELP_DIR when it is set; otherwise the first of the installed pages
// (program folder + "../share/trawler/help/"), program folder + "help/" and the pages of the
// source tree that holds "index.html"; the source tree's folder when none does.
QString HelpFolder();
// The file URL of the page (with its anchor as the fragment) that shows a help topic: 67 the
// main and folder windows, 81 and 74 the folder choice of a new and of a temporary cabinet,
// 60 the options with their tabs 59, 87 and 88, 57 the tool registration. Any other topic
// gives the contents page "index.html".
QUrl HelpTopicUrl(int topic);
