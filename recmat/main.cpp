// recmat: pulls the numbers of the seven-line records of a log into "temp.mat".
#include "recmat/recmat_run.h"

int main(int argc, char** argv) {
  return recmat::run_recmat(argc, argv);
}
