#include "app/app.h"

int main(int argc, char** argv) { return zn::runDesktop(argc, argv, zn::GridVariant::Britain); }
