// The zelk program: everything it does at start lives in the application.
#include "app/application.h"

int main(int argc, char** argv) {
  return zelk::RunApplication(argc, argv);
}
