#pragma once

#define CELFORGE_SPR_VERSION "1.0.0"
