#include "browser/EmbeddedBrowser.h"

#include <gtest/gtest.h>
