#!/bin/sh
# The show reads its five files from the folder it is started in: start it
# in the folder they are installed in, wherever this is called from.
cd /usr/share/games/cquorvath || exit 1
exec /usr/libexec/cquorvath/cquorvath
