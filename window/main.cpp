#include <QApplication>

#include "window/MessageBoxes.h"
#include "window/Pictures.h"
#include "window/TForm1.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  // Message boxes are captioned with the program's own name: "vorlane" shows as "Vorlane".
  QApplication::setApplicationName(vorlane::ApplicationTitle(QString::fromLocal8Bit(argv[0])));
  application.setWindowIcon(vorlane::ProgramIcon());
  vorlane::TForm1 Form1;
  Form1.show();
  return application.exec();
}
