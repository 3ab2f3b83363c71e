#include "app/Tavrin_Pj.h"

#include "app/line/SessionRecording.h"
#include "app/main/UnitPrincipal.h"
#include "app/qt/QtApplication.h"
#include "app/qt/QtTranslations.h"
#include "app/windows/UnitAjuda.h"
#include "app/windows/UnitConfigTerm.h"
#include "app/windows/UnitSobre.h"
#include "board/SimulatedPort.h"

#include <QTimer>

namespace tavrin {

int Tavrin_Pj(const StartOptions& options) {
    const QtTranslations translations;
    // The simulated board: a port "SIM" to practise on without hardware, opened like any
    // other and listed beside the system's devices, for the whole run.
    board::SimulatedPort simulatedBoard;
    simulatedBoard.Device().SetListed(board::kSimulatedPortDescription);
    QtApplication app;
    app.SetTitle(QStringLiteral("Tavrin 1.0 - Comunicação Serial"));
    app.CreateForm(Quelt);
    if (!options.port.empty()) {
        Quelt->ComPort->SetPort(options.port);
        // The port chosen at start-up is the start, not a change the tools should report.
        Quelt->Traffic().Follow(SettingsOf(*Quelt->ComPort));
    }
    // Recording starts as the message loop does, before anything can cross the line, so
    // that a file that cannot be written is told in a box over the main window; the
    // program then runs on without a transcript.
    if (!options.log.isEmpty())
        QTimer::singleShot(0, Quelt, [log = options.log] { Quelt->Recording().Start(log); });
    // The help window and the terminal settings take the main window's colour as they are
    // created, so they come after it.
    app.CreateForm(FormAjuda);
    app.CreateForm(FormSobre);
    app.CreateForm(ConfigTerm);
    return app.Run();
}

} // namespace tavrin
