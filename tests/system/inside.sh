#!/bin/sh
# Runs inside the booted test container as a unit of its own: installs the packages, drives the
# service through the real system bus and systemd, writes one PASS or FAIL line per check to
# /out/results, and powers the container off (the unit's ExecStopPost).
set -u
results=/out/results
: >"$results"
check() {
	name=$1
	shift
	if "$@" >>/out/log 2>&1; then echo "PASS $name" >>"$results"; else echo "FAIL $name" >>"$results"; fi
}
# The files outside the system's own bookkeeping, to show what the packages leave behind.
snapshot() {
	find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp \
		-o -path /var/tmp -o -path /var/log -o -path /var/cache -o -path /var/lib/apt \
		-o -path /var/lib/dpkg -o -path /out -o -path /test \) -prune -o -print | sort
}
challenge=00112233445566778899aabbccddeeff0123456789abcdeffedcba9876543210
# call [USER]: one signing request through the bus as root or as USER; prints the signature.
call() {
	run=""
	[ $# -gt 0 ] && run="setpriv --reuid=$1 --regid=$1 --clear-groups"
	$run busctl call com.vorlix.quellarion /com/vorlix/quellarion com.vorlix.quellarion \
		dovazorerevozoredevo ss -- DeRiViduz "$challenge" | sed -n 's/^s "\([0-9a-f]*\)"$/\1/p'
}
signs_after_activation() {
	systemctl is-active --quiet quellarion.service && return 1
	signature=$(call "$@")
	[ ${#signature} -eq 128 ] && /test/smc-sim-key verify "$challenge" "$signature" &&
		systemctl is-active --quiet quellarion.service
}
capabilities_are_dac_override_only() {
	pid=$(systemctl show -p MainPID --value quellarion.service)
	status=$(cat "/proc/$pid/status")
	echo "$status" | grep -E '^(Cap|NoNewPrivs)'
	for set in CapInh CapPrm CapEff CapBnd CapAmb; do
		echo "$status" | grep -qx "$set:	0000000000000002" || return 1
	done
	echo "$status" | grep -qx 'NoNewPrivs:	1'
}
journal_has_progress_lines() {
	lines=$(journalctl -b -u quellarion.service -o cat)
	echo "$lines"
	echo "$lines" | grep -q '^quellarion: received message' &&
		echo "$lines" | grep -q '^quellarion: message processed'
}
# An upgrade stops a running instance, so that the next call starts the new program.
upgrade_stops_running_service() {
	systemctl is-active --quiet quellarion.service || return 1
	DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall /test/quellarion_*.deb &&
		! systemctl is-active --quiet quellarion.service
}
nothing_left_behind() {
	snapshot >/tmp/after
	! diff /tmp/before /tmp/after | grep '^[<>]'
}

snapshot >/tmp/before
check install env DEBIAN_FRONTEND=noninteractive apt-get install -y -q /test/*.deb
check not-started-by-install sh -c '! systemctl is-active --quiet quellarion.service'
# The simulated driver in place of the board's: preloaded by a drop-in, its log in the unit's
# private /tmp, and a device node for DeviceAllow= to admit.
mkdir -p /etc/systemd/system/quellarion.service.d
cat >/etc/systemd/system/quellarion.service.d/simulated-driver.conf <<CONF
[Service]
Environment=LD_PRELOAD=/test/libsmc_sim.so SMC_SIM_LOG=/tmp/smc-sim.log
CONF
mknod /dev/smc_dri c 240 0
systemctl daemon-reload
check root-call-activates-and-signs signs_after_activation
check capabilities-and-no-new-privileges capabilities_are_dac_override_only
check upgrade-stops-running-service upgrade_stops_running_service
check stop systemctl stop quellarion.service
check unprivileged-call-activates-and-signs signs_after_activation 65534
systemctl stop quellarion.service
check call-after-stop-activates-again signs_after_activation
check journal-progress-lines journal_has_progress_lines
rm -r /etc/systemd/system/quellarion.service.d /dev/smc_dri
systemctl daemon-reload
check purge env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q quellarion libboundslib1 libboundslib-dev
check purge-leaves-nothing nothing_left_behind
echo done >>"$results"
