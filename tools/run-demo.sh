#!/usr/bin/env bash
# Starts the client against the bundled demo platform.
echo "The demo is not available yet: the login, quick-login and game windows and the"
echo "demo platform server are the next pieces of work. See README.md for what the"
echo "programs do today."
exit 2
