#include "app/download.h"

int DownloadToFile(const std::string&, const std::string&) { return 0; }
