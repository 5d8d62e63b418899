# Prints a TextGrid's tier count and total duration, then per tier its
# interval count, then the text of interval 3 of tier 1.
form Read
  sentence path
endform
Read from file: path$
tiers = Get number of tiers
duration = Get total duration
writeInfoLine: tiers, " ", fixed$(duration, 6)
for tier to tiers
  intervals = Get number of intervals: tier
  appendInfoLine: intervals
endfor
text$ = Get label of interval: 1, 3
appendInfoLine: text$
