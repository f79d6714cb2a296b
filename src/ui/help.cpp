#include "ui/help.h"
// Stand-in until the help window lands.
void ShowHelpTopic(int) {}
void ShowHelpContents() {}
void ShowAboutBox(QWidget *) {}
