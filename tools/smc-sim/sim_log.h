/* The driver's request log, named by SMC_SIM_LOG; without it nothing is written. */
#ifndef SMC_SIM_LOG_H
#define SMC_SIM_LOG_H

/* Appends one formatted line (the newline is added) with a single write, so lines from several
 * processes sharing the file never interleave. Keeps errno as it was. */
void smc_sim_log(const char *format, ...) __attribute__((format(printf, 1, 2)));

#endif
