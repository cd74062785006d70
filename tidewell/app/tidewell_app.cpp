#include "tidewell/app/tidewell_app.h"

#include <QCoreApplication>

#include "tidewell/app/custom_update_dialog.h"
#include "tidewell/app/generate_dialog.h"
#include "tidewell/app/message_boxes.h"
#include "tidewell/app/product_list_dialog.h"
#include "tidewell/app/product_table.h"
#include "tidewell/app/reboot_request.h"
#include "tidewell/app/run_messages.h"
#include "tidewell/app/startup_decision.h"
#include "tidewell/app/list_trust.h"
#include "tidewell/app/update_run.h"
#include "tidewell/app/update_run_dialog.h"

namespace tidewell {

TidewellApp::TidewellApp(MessageBoxes& boxes, bool showWindows, std::ostream& diagnostics)
    : boxes_(boxes),
      showWindows_(showWindows),
      diagnostics_(diagnostics),
      quit_([](int status) { QCoreApplication::exit(status); }) {}

TidewellApp::~TidewellApp() = default;

bool TidewellApp::InitInstance(const std::string& commandLine) {
  const StartupDecision decision = DecideStartup(commandLine);
  switch (decision.face) {
    case StartupFace::ProductList:
      return RunProductListWindow();
    case StartupFace::Generator:
      return RunGeneratorWindow();
    case StartupFace::ResumeEnd:
      return false;
    case StartupFace::UnknownProduct:
      exitStatus_ = kExitUnknownProduct;
      return false;
    case StartupFace::NotInstalled:
      boxes_.ShowMessage(NotInstalledMessage(decision.productName));
      exitStatus_ = kExitUnknownProduct;
      return false;
    case StartupFace::CustomUpdate:
      return RunCustomUpdate();
    case StartupFace::ProductRun:
      boxes_.ShowMessage(ShutDownMessage(decision.productName));
      return StartProductRun(decision.productName, decision.position) != nullptr;
  }
  return false;
}

bool TidewellApp::RunProductListWindow() {
  if (!showWindows_) {
    diagnostics_
        << "tidewell: without windows a product switch is needed (for example /LEAFLINE)\n";
    return false;
  }
  // A run started from the list ends the program through OnRunFinished, which also
  // ends this modal loop.
  ProductListDialog dialog(*this);
  dialog.exec();
  return false;
}

bool TidewellApp::RunGeneratorWindow() {
  if (!showWindows_) {
    diagnostics_ << "tidewell: the generator needs its window; without windows use tidewell-gen\n";
    exitStatus_ = kExitGeneratorUnavailable;
    return false;
  }
  GenerateDialog dialog(boxes_);
  dialog.exec();
  return false;
}

bool TidewellApp::RunCustomUpdate() {
  CustomUpdateValues values = customValues_;
  if (showWindows_) {
    CustomUpdateDialog dialog;
    dialog.SetValues(values);
    if (dialog.exec() != QDialog::Accepted) return false;
    values = dialog.Values();
  } else if (values.listUrl.empty() || values.targetFolder.empty() || values.productName.empty()) {
    // The window would keep OK disabled: there is nothing to run.
    diagnostics_ << "tidewell: /UNDEF without windows needs --list-url, --target and --product\n";
    exitStatus_ = kExitUnknownProduct;
    return false;
  }
  return StartCustomRun(values) != nullptr;
}

UpdateRun* TidewellApp::StartProductRun(const std::string& productName, int position) {
  std::string installFolder;
  std::string listUrl;
  LookupInstallFolder(productName, installFolder);
  GetListUrl(position, listUrl);
  return StartPreparedRun(productName, installFolder, listUrl);
}

UpdateRun* TidewellApp::StartCustomRun(const CustomUpdateValues& values) {
  std::string installFolder = values.targetFolder;
  if (installFolder.empty() || installFolder.back() != '/') installFolder += '/';
  return StartPreparedRun(values.productName, installFolder, values.listUrl);
}

UpdateRun* TidewellApp::StartPreparedRun(const std::string& productName,
                                         const std::string& installFolder,
                                         const std::string& listUrl) {
  std::unique_ptr<UpdateRunDialog> window;
  std::unique_ptr<UpdateRun> windowless;
  if (showWindows_) {
    window = std::make_unique<UpdateRunDialog>();
  } else {
    windowless = std::make_unique<UpdateRun>();
  }
  UpdateRun& run = window ? window->run() : *windowless;
  run.SetProductName(productName);
  run.SetShowProgress(showWindows_);
  run.SetInstallFolder(installFolder);
  run.SetListUrl(listUrl);
  run.SetPublicKeyPath(PublicKeyPathFor(productName, publicKeyPath_));
  run.SetStagingFolder(MakeStagingFolder());
  run.SetResultReceiver(this);
  stagingFolder_ = run.stagingFolder();
  productName_ = productName;
  run.SetLocalListPath(MakeLocalListPath(stagingFolder_, listUrl));
  if (window) window->show();
  if (!(window ? window->StartRun() : run.Start())) {
    // Such a run would never report: end instead of waiting for ever.
    diagnostics_ << "tidewell: no update list address for " << productName << "\n";
    run.CleanUp();
    exitStatus_ = kRunListNotFetched;
    return nullptr;
  }
  runWindow_ = std::move(window);
  windowlessRun_ = std::move(windowless);
  mainWindow_ = runWindow_.get();
  return &run;
}

void TidewellApp::OnRunFinished(int code) {
  // Only the first result counts: the program ends with it.
  if (finished_) return;
  finished_ = true;
  const RunFinishedMessage message = RunFinishedText(code, productName_);
  if (!message.askRestart) {
    boxes_.ShowMessage(message.text);
  } else if (boxes_.AskYesNo(message.text)) {
    if (!RequestReboot())
      diagnostics_ << "tidewell: the restart command failed: " << RebootCommand() << "\n";
  } else {
    boxes_.ShowMessage(message.noText);
  }
  mainWindow_ = nullptr;
  exitStatus_ = code >= kRunListNotFetched && code <= kRunFilesNotFetched ? code : kRunUpdated;
  if (quit_) quit_(exitStatus_);
}

void TidewellApp::OnWindowMessage(unsigned message, uintptr_t wParam, intptr_t) {
  if (message == WM_RUN_FINISHED) OnRunFinished(static_cast<int>(wParam));
}

}  // namespace tidewell
