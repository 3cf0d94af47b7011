#pragma once

// Names the program as the desktop shows it (application name, organisation, version, menu entry)
// and gives its windows and prompts the packaged icon.
void setProgramIdentity();
