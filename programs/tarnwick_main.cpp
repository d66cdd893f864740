// Tarnwick: the application object; the framework's start-up runs it.
#include "programs.h"
#include "viewer_app.h"

CViewerApp theApp(TarnwickProgram());
