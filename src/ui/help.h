#pragma once
// The program's help: Japanese HTML pages shown in a help window, reached by topic number.
class QWidget;

// Opens (or raises) the help window at the page or anchor of a help topic; an unknown topic
// shows the contents page.
void ShowHelpTopic(int topic);
// Opens (or raises) the help window at the contents page.
void ShowHelpContents();
// The box with the program's name and version.
void ShowAboutBox(QWidget *parent);
