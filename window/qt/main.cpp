#include <QApplication>
#include <QCommandLineParser>

#include "vorlane/Version.h"
#include "window/WindowTexts.h"
#include "window/qt/Pictures.h"
#include "window/qt/TForm1.h"

namespace {

// --help and --version print and end the program; an unknown option ends it with an error.
// QApplication has already taken Qt's own options (-platform, -style, ...) out of the arguments.
void ProcessCommandLine(const QApplication& application) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Writes voice recordings to the SD cards of Vorlane playback devices."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.process(application);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  // Message boxes are captioned with the program's own name: the program file vorlane gives
  // "vorlane".
  QApplication::setApplicationName(QString::fromStdString(
      vorlane::ApplicationTitle(QString::fromLocal8Bit(argv[0]).toStdString())));
  QApplication::setApplicationVersion(QString::fromLatin1(vorlane::Version));
  // Wayland desktops match the window to its menu entry (and its icon) by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.vorlane.Vorlane"));
  ProcessCommandLine(application);
  application.setWindowIcon(vorlane::ProgramIcon());
  vorlane::TForm1 Form1;
  Form1.show();
  return application.exec();
}
