// Linked into every test program: tests run unattended, so no message box may
// wait for an answer.  A test that checks such a box clears the flag for the
// time being and closes the box itself.
#include <plotrendersettings.h>

[[maybe_unused]] static const bool unattended = (zebplotUserInteractionDisabled = true);
