#!/bin/sh
# A disk that fills up, for the tests of outputs that do not fit: a tmpfs of
# one megabyte mounted on FOLDER (the tests run as root). Where mounting is
# refused the folder stays without its marker file "mounted", and the tests
# that need it are skipped with a message saying so.
#   small_disk.sh mount FOLDER | small_disk.sh unmount FOLDER
set -u
mode=$1
folder=$2

case $mode in
mount)
    umount "$folder" 2>/dev/null
    rm -rf "$folder"
    mkdir -p "$folder"
    if mount -t tmpfs -o size=1m,mode=0777 quillet-small-disk "$folder" 2>/dev/null; then
        : >"$folder/mounted"
        echo "small disk: 1 MB mounted on $folder"
    else
        echo "small disk: mounting a tmpfs was refused; the full-disk tests will be skipped"
    fi
    ;;
unmount)
    umount "$folder" 2>/dev/null
    rm -rf "$folder"
    ;;
esac
exit 0
