#include <QApplication>

#include "window/Pictures.h"
#include "window/TForm1.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  application.setWindowIcon(vorlane::ProgramIcon());
  vorlane::TForm1 Form1;
  Form1.show();
  return application.exec();
}
