// Times go-nmea (github.com/adrianmo/go-nmea, as Debian packages it) on a
// stream file, in two ways: every line parsed, as a user of that library
// would, and only the RMC, GGA and VTG lines parsed (the others skipped by
// their tag), which is closer to what the collector decodes. Parsing includes
// the library's checksum test. Prints a line of figures for each.
package main

import (
	"bytes"
	"fmt"
	"os"
	"time"

	nmea "github.com/adrianmo/go-nmea"
)

var wanted = [][]byte{[]byte("RMC"), []byte("GGA"), []byte("VTG")}

func decodes(line []byte) bool {
	if len(line) < 6 {
		return false
	}
	for _, tag := range wanted {
		if bytes.Equal(line[3:6], tag) {
			return true
		}
	}
	return false
}

// One pass over the stream: sentences seen, sentences refused, and a sum of
// decoded values that keeps the work from being optimised away.
func pass(data []byte, onlyFixes bool) (sentences, refused int, sum float64) {
	for rest := data; len(rest) > 0; {
		end := bytes.IndexByte(rest, '\n')
		next := end + 1
		if end < 0 {
			end, next = len(rest), len(rest)
		}
		line := bytes.TrimRight(rest[:end], "\r")
		rest = rest[next:]
		if len(line) == 0 {
			continue
		}
		sentences++
		if onlyFixes && !decodes(line) {
			continue
		}
		s, err := nmea.Parse(string(line))
		if err != nil {
			refused++
			continue
		}
		switch m := s.(type) {
		case nmea.RMC:
			sum += m.Latitude + m.Speed
		case nmea.GGA:
			sum += m.Longitude + m.HDOP
		case nmea.VTG:
			sum += m.GroundSpeedKnots
		}
	}
	return
}

func main() {
	if len(os.Args) != 2 {
		fmt.Fprintln(os.Stderr, "usage: go_nmea STREAM")
		os.Exit(2)
	}
	data, err := os.ReadFile(os.Args[1])
	if err != nil {
		fmt.Fprintln(os.Stderr, err)
		os.Exit(1)
	}
	for _, onlyFixes := range []bool{false, true} {
		best := time.Duration(1 << 62)
		var sentences, refused int
		var sum float64
		for round := 0; round < 3; round++ {
			start := time.Now()
			sentences, refused, sum = pass(data, onlyFixes)
			if elapsed := time.Since(start); elapsed < best {
				best = elapsed
			}
		}
		what := "every sentence"
		if onlyFixes {
			what = "RMC, GGA, VTG only"
		}
		seconds := best.Seconds()
		fmt.Printf("go-nmea (%s): %.0f MB/s, %.2f M sentences/s (%d refused, check %.0f)\n",
			what, float64(len(data))/seconds/1e6, float64(sentences)/seconds/1e6, refused, sum)
	}
}
