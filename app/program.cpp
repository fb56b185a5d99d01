#include "app/program.h"

#include "app/main_window.h"
#include "app/nail_scroll_box.h"
#include "platform/application.h"
#include "platform/hint_delay_style.h"
#include "platform/install_locations.h"

namespace zv {

int runProgram(int argc, char** argv)
{
    Application app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zorvane"));
    setApplicationTitle(QStringLiteral("Zorvane  -  ver. 1.03"));

    const RegistryStore registry = buildProgramRegistry();
    TForm1 form(registry);

    // Hints show at once, everywhere in the program.
    QApplication::setStyle(new HintDelayStyle(1));

    form.showMaximized();
    form.sbFind->setEnabled(true);
    form.sbxNails->setFocus();
    return app.exec();
}

} // namespace zv
