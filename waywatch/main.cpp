#include <cstdio>

#include "common/I18n.h"
#include "waywatch/WwCheckProc.h"

int main(int argc, char** argv) {
    suite::InitLocale("Waywatch", false);
    return waywatch::WaywatchMain(argc, argv, waywatch::WaywatchConfig{}, stdout);
}
