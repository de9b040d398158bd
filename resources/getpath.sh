#!/usr/bin/env bash
# Run by a login bash, so that PATH is the one the user's login profile sets.
printf '%s\n' "$PATH"
