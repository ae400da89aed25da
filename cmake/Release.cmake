# The release this source tree builds: the one place its version is written. The product's
# header (release_version.h), its version resource and manifest, and the demo packages all take
# it from here.
set(QUORIX_RELEASE_VERSION 10.0.4410.11)
