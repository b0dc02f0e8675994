#include "app/app.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include "app/mainwindow.h"
#include "app/qthost.h"
#include "shell/dispatch.h"
#include "shell/notices.h"
#include "shell/results.h"
#include "store/files.h"
#include "store/text.h"

namespace zn {

namespace {

// The logo shown while the program starts: 304 x 204 pixels, borderless.
class LogoWindow : public QWidget {
 public:
  LogoWindow() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setFixedSize(304, 204);
    setCursor(Qt::BusyCursor);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(192, 192, 192));
    p.fillRect(QRect(1, 1, 302, 202), QColor(24, 52, 96));
    // A stylised grid of map cells shaded by richness.
    for (int r = 0; r < 6; ++r)
      for (int c = 0; c < 9; ++c) {
        int v = (r * 37 + c * 53 + r * c * 11) % 7;
        QColor colour = QColor::fromHsv(120 - v * 15, 170, 110 + v * 20);
        p.fillRect(QRect(18 + c * 30, 108 + r * 14, 28, 12), colour);
      }
    p.setPen(QColor(255, 255, 255));
    QFont title("Liberation Sans", 26, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(0, 18, 304, 44), Qt::AlignCenter, "ZONARIUM IV");
    QFont sub("Liberation Sans", 10);
    p.setFont(sub);
    p.drawText(QRect(0, 62, 304, 20), Qt::AlignCenter, "biodiversity mapping and priority areas");
    p.drawText(QRect(0, 82, 304, 18), Qt::AlignCenter, kResultsVersion);
  }
};

// Map drawing uses Arial; on this platform a metric-compatible face stands in.
void substituteFonts() { QFont::insertSubstitutions("Arial", {"Liberation Sans", "Arimo", "DejaVu Sans"}); }

}  // namespace

int runDesktop(int argc, char** argv, GridVariant variant) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(gridSystem(variant).programName());
  QApplication::setOrganizationName("Zonarium");
  substituteFonts();

  // Our own options: --home DIR and an optional datafile to open first.
  std::filesystem::path home;
  std::filesystem::path datafile;
  QString screenshot;  // --screenshot FILE: save the window once it is up, then quit
  QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--home" && i + 1 < args.size()) home = args[++i].toStdString();
    else if (args[i] == "--screenshot" && i + 1 < args.size()) screenshot = args[++i];
    else if (!args[i].startsWith('-')) datafile = args[i].toStdString();
  }
  if (home.empty()) home = defaultProgramFolder();

  LogoWindow logo;
  QRect desk =
      QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry() : QRect(0, 0, 1024, 768);
  logo.move(desk.left() + desk.width() / 2 - 152, desk.top() + desk.height() * 6 / 10 - 102);
  logo.show();
  QApplication::processEvents();
  QElapsedTimer shown;
  shown.start();

  std::vector<std::filesystem::path> failedCopies;
  populateProgramFolder(home, shippedProgramData(), &failedCopies);
  QtHost host;
  for (const auto& f : failedCopies)
    host.messageBox(strprintf("Can't copy file\n%s", f.string().c_str()), "Program folder", Icon::Warning, Buttons::Ok);
  Session session(host, home, variant);
  const bool started = startSession(session);
  showNotices(session, host);
  if (!started) return 0;
  Shell shell(session, host);
  startResultsFile(shell.resultsFile());

  while (shown.elapsed() < 2000) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(20);
  }
  logo.hide();

  MainWindow window(shell, QString("%1 (Qt edition)").arg(QStringLiteral("4.1")));
  host.setWindow(&window);
  if (!datafile.empty()) host.presetOpenFile(datafile);
  window.show();
  if (!screenshot.isEmpty())
    QTimer::singleShot(1000, &window, [&] {
      window.grab().save(screenshot);
      QApplication::exit(0);
    });
  return app.exec();
}

}  // namespace zn
