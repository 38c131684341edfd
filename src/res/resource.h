/* The program's resource ids that the resource script (relvo.rc) and the
   code both use. Plain defines, read by the resource compiler too. */
#pragma once

/* The main frame's document template, icon, menu and accelerators. */
#define IDR_MAINFRAME 128
