// Glimmerfolding: a real-time audiovisual demo in a text terminal.
#include "demo/demo.h"

int main() {
  int status;
  {
    glimmer::Demo demo;
    status = glimmer::runProgram(demo);
  }
  return status;
}
