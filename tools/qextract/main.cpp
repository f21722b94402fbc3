// Command-line front end of the extraction engine.
#include "engine/engine.h"

int main(int argc, char** argv)
{
    return engine_main(argc, argv);
}
