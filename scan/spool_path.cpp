#include "core/app_data_path.h"
#include "scan/spool_file.h"

std::string SpoolFilePath() { return CommonAppDataFile("ZOL_MF1DS.raw"); }
