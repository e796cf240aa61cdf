#!/bin/sh
# provider.peer is the template peer Debian's ppp package installs as /etc/ppp/peers/provider
# (its "connect" line still holds the placeholder number). Fetched with:
set -e
cd "$(mktemp -d)"
apt-get download ppp
dpkg-deb -x ppp_*.deb x
cp x/usr/share/ppp/provider.peer "$OLDPWD/provider.peer"
