#include "md_start.h"

int main(int argc, char *argv[])
{
    return md_start(argc, argv);
}
