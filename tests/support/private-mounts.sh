# Sourced by the end-to-end scripts that make loop devices read as removable inside a private
# mount namespace (unshare -m). In a chroot or a container unshare -m may not be able to make
# the mounts private ("cannot change root filesystem propagation"); such a test cannot run there
# and skips, with one line saying why. Needs the script's skip function.
require_private_mounts() {
  local said
  said=$(unshare -m mount --make-rprivate / 2>&1) ||
    skip "mount propagation cannot be changed here (unshare -m: ${said%%$'\n'*})"
}
