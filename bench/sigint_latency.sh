#!/bin/bash
# Time from SIGINT to exit of batch runs at n = 10000, for the methods whose
# kernels are long (the Hessian fill, the BFGS passes, the dense Gauss
# elimination of HILBERT (b)). Prints one line per run: the function and
# method, the delay before the signal, the seconds from
# the signal to the exit and the exit status (130 expected).
# Usage: bench/sigint_latency.sh [tarvik binary] [seconds before SIGINT...]
tarvik=${1:-build/tarvik}
shift
delays=${*:-1.5 4}
for run in "generalized-rosenbrock newton" "generalized-rosenbrock trust-region" \
           "generalized-rosenbrock bfgs-golden" "hilbert-b newton"; do
    read -r function method <<<"$run"
    for delay in $delays; do
        "$tarvik" --batch --n 10000 --function "$function" --start 0 --method "$method" --eps 1e-9 \
            >/dev/null 2>&1 &
        pid=$!
        sleep "$delay"
        sent=$(date +%s.%N)
        kill -INT "$pid"
        wait "$pid"
        status=$?
        done_at=$(date +%s.%N)
        printf '%-37s after %4ss: exit %3d, %.3f s from SIGINT to exit\n' "$function $method" "$delay" "$status" \
            "$(echo "$done_at - $sent" | bc -l)"
    done
done
