// Compiles the generated client DSProxy.h once; other files only import it.
#define DSPROXY_IMPLEMENTATION
#import "DSProxy.h"
