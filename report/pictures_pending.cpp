// Stand-by definitions of the picture routines the form command calls, used only while the
// picture table's own definitions are not part of the build; those replace these.

#include "report/pictures.h"

namespace kvom::report {

__attribute__((weak)) std::int32_t PictureBracketFlag = 1;
__attribute__((weak)) void LoadPagePictures(const char*) {}
__attribute__((weak)) void FreeAllPictures() {}

}  // namespace kvom::report
