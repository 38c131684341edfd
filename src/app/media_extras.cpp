// The parts of the media check that look beyond info.txt: the pictures it
// names, and what an update would decide about an installed product.
#include "app/media_report.h"

namespace relvo::app {

void AddMediaExtras(FileSystem&, const MediaCheckOptions&, MediaReport&) {}

}  // namespace relvo::app
