#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test in a mount namespace of its own, where it may mount a small disk
# and fill it up for real. Where namespaces are not allowed the test still runs,
# and says which of its cases it skipped.
if unshare -rm true 2>/dev/null; then
    VELMARIS_MOUNT_NAMESPACE=1 exec unshare -rm "$@"
fi
echo "SKIP (disk cases): unshare -rm is not permitted here; the full and read-only disks are not tried" >&2
exec "$@"
