#include "app/program.h"

#include "platform/application.h"

namespace zv {

int runProgram(int argc, char** argv)
{
    Application app(argc, argv);
    return 0;
}

} // namespace zv
