#pragma once
#include "apiclient.h"  // ServerProcess lives there, with the client that talks to it
