// tidewell: the client. A product switch updates that product, no switch shows the
// installed products, /UNDEF asks for a product by hand; --quiet runs without windows
// and --apply-pending carries out the replacements deferred to the next start.

#include <QApplication>
#include <QCoreApplication>
#include <QtGlobal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "corvane_version.h"
#include "tidewell/app/client_options.h"
#include "tidewell/app/message_boxes.h"
#include "tidewell/app/progress_window.h"
#include "tidewell/app/startup_decision.h"
#include "tidewell/app/tidewell_app.h"
#include "tidewell/platform/folders.h"
#include "tidewell/platform/pending_moves.h"

namespace {

// Without windows, standard error carries only what went wrong: the offscreen platform's
// notes about windows that are never seen are dropped.
void KeepOnlyCriticalQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << text.toStdString() << '\n';
}

// Qt keeps a private runtime folder. Outside a desktop session there is none, and Qt would
// leave one behind in the temporary folder: this one goes when the program ends.
class RuntimeFolderForRun {
 public:
  RuntimeFolderForRun() {
    if (std::getenv("XDG_RUNTIME_DIR") != nullptr) return;
    std::string pattern = tidewell::TempFolder() + "tidewell-runtime-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return;
    path_ = pattern;
    setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
  }
  ~RuntimeFolderForRun() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  RuntimeFolderForRun(const RuntimeFolderForRun&) = delete;
  RuntimeFolderForRun& operator=(const RuntimeFolderForRun&) = delete;

 private:
  std::string path_;
};

constexpr const char* kUsage =
    "usage: tidewell [/PRODUCT | /UNDEF | /RESUME | /GEN] [--quiet]\n"
    "       tidewell /UNDEF --quiet --list-url URL --target DIR --product NAME\n"
    "                [--public-key FILE]\n"
    "       tidewell --apply-pending\n"
    "       tidewell --help | --version\n";

constexpr const char* kHelp =
    "Updates an installed product from its update server.\n"
    "  /PRODUCT         update that product (for example /LEAFLINE); without a switch, pick\n"
    "                   one from the installed products\n"
    "  /UNDEF           type the list address, target folder and product name by hand\n"
    "  /GEN             open the window that builds and uploads update sets\n"
    "  --quiet          no windows: each message on its own line on standard output,\n"
    "                   questions answered No, exit status the run's result\n"
    "                   (0 updated, 1 list not fetched, 2 nothing to update, 3 files wait\n"
    "                   for the next start, 4 files not fetched, 5 unknown product)\n"
    "  --public-key F   the Ed25519 public key (PEM) update lists must be signed with; else\n"
    "                   TIDEWELL_PUBLIC_KEY, else the product's UpdatePublicKey value\n"
    "  --apply-pending  carry out the replacements that wait for the next start\n";

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto options =
      tidewell::ParseClientOptions(std::vector<std::string>(argv, argv + argc), error);
  if (!options) {
    std::cerr << "tidewell: " << error << "\n" << kUsage;
    return tidewell::kExitUnknownProduct;
  }
  // Neither needs a display: both answer before anything of the window system starts.
  if (options->help) {
    std::cout << kUsage << kHelp;
    return 0;
  }
  if (options->version) {
    std::cout << "tidewell " << CORVANE_VERSION << "\n";
    return 0;
  }
  if (options->applyPending) return tidewell::ApplyPendingMoves(std::cerr) ? 0 : 1;

  const std::string commandLine = tidewell::StartupCommandLine(options->startupArgs);
  const tidewell::CustomUpdateValues custom{options->listUrl, options->target, options->product};

  // Without windows only the event loop is needed: no display, no widget, no window system.
  if (options->quiet) {
    qInstallMessageHandler(KeepOnlyCriticalQtMessages);
    QCoreApplication application(argc, argv);
    tidewell::PrintedMessageBoxes boxes(std::cout);
    tidewell::TidewellApp app(boxes, false, std::cerr);
    app.SetCustomValues(custom);
    app.SetPublicKeyPath(options->publicKey);
    if (!app.InitInstance(commandLine)) return app.exitStatus();
    QCoreApplication::exec();
    return app.exitStatus();
  }

  const RuntimeFolderForRun runtimeFolder;
  QApplication application(argc, argv);
  // Windows come and go (progress windows, a hidden run window); only the run's
  // result ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  tidewell::ShowTransferProgressInWindows();
  tidewell::WindowMessageBoxes boxes;
  tidewell::TidewellApp app(boxes, true, std::cerr);
  app.SetCustomValues(custom);
  app.SetPublicKeyPath(options->publicKey);
  if (!app.InitInstance(commandLine)) return app.exitStatus();
  QApplication::exec();
  return app.exitStatus();
}
