#include "rootgate/Rootgate.h"

int main(int argc, char** argv, char** envp) {
    return rootgate::RootgateMain(argc, argv, envp);
}
