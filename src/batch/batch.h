#pragma once
// Scenario batches: the one header the rest of the program includes. A batch
// file names an analysis, a base scenario and the values to vary; its runs
// live in the tables `batch` and `batch_run`; they run on this machine
// (workers) or as a Slurm job array, each run claiming its row, and are
// collected into a table with statistics over replicates and a selection
// frequency per pixel.
#include "batch/batch_collect.h"
#include "batch/batch_file.h"
#include "batch/batch_runs.h"
#include "batch/batch_slurm.h"
