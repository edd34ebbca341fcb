#include "FormText.h"

#include <iostream>

int main(int argc, char** argv) {
    return RunFormc(std::vector<std::string>(argv + 1, argv + argc), std::cerr);
}
