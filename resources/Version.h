// The saver's version: the version resource and the release bundle's names
// both come from here (quenmoor.sh reads QM_VERSION_TEXT).
#pragma once

#define QM_VERSION_MAJOR         1
#define QM_VERSION_MINOR         0
#define QM_VERSION_PATCH         0
#define QM_VERSION_TEXT          "1.0.0"
#define QM_VERSION_RESOURCE_TEXT "1.0.0.0"
