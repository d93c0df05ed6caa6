// The Settings dialog's bare modem commands.
#include "core/board/BoardSession.h"
#include "gui/App.h"
#include "gui/SettingsDialog.h"

// The bare modem commands go to the port at once: no port selection, no frame, no checksum,
// no wait, also during another exchange's wait.
void SettingsDialog::onPcClicked() { app.boardSession->sendBare("PC"); }
void SettingsDialog::onModemClicked() { app.boardSession->sendBare("MD"); }
void SettingsDialog::onTimeQueryClicked() { app.boardSession->sendBare("TIME?"); }
