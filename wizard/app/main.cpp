// metrovik: the operator's verification wizard.
#include "metrovik.h"

int main(int argc, char** argv) {
    return trelon::wizard::RunMetrovik(argc, argv);
}
