#!/usr/bin/perl
# Tools we did not write, against `carillo`: Palm::PDB reads what it writes and writes what it
# reads, and reads what it edits; a Palm DOC database from txt2pdbdoc holds no tune, and midicsv reads every tune it
# extracts.   interop.pl CHECK CARILLO   (exit 0 passed, 1 failed, 77 skipped)
use strict;
use warnings;
use File::Temp qw(tempdir);
use File::Basename qw(basename);
use POSIX ();
use Palm::PDB;
use Palm::Raw;

my ($check, $carillo) = @ARGV;
die "usage: interop.pl CHECK CARILLO\n" unless defined $carillo && -x $carillo;
my $tmp = tempdir('carillo-interop-XXXXXX', TMPDIR => 1, CLEANUP => 1);
my $real_tunes = '/usr/share/games/openttd/baseset/openmsx';
my $failures = 0;

sub fail { print STDERR "FAIL: @_\n"; $failures++; }
sub same {
  my ($got, $want, $what) = @_;
  return if $got eq $want;
  if (length($got) + length($want) < 160 && "$got$want" !~ /[^\n\x20-\x7e]/) {
    return fail("$what: got '$got', want '$want'");
  }
  my $at = 0;
  $at++ while $at < length($got) && $at < length($want) && substr($got, $at, 1) eq substr($want, $at, 1);
  fail(sprintf("%s: %d bytes, want %d; they differ from byte %d", $what, length $got, length $want, $at));
}

sub slurp {
  my ($path) = @_;
  open my $fh, '<:raw', $path or die "$path: $!\n";
  local $/;
  my $bytes = <$fh>;
  return defined $bytes ? $bytes : '';
}

sub spew {
  my ($path, $bytes) = @_;
  open my $fh, '>:raw', $path or die "$path: $!\n";
  print $fh $bytes;
  close $fh or die "$path: $!\n";
}

# Runs a program with no terminal; its exit status (-1 for a signal) and both outputs.
my $runs = 0;
sub run {
  my @command = @_;
  my ($out, $err) = ("$tmp/out." . ++$runs, "$tmp/err.$runs");
  my $pid = fork // die "fork: $!\n";
  if ($pid == 0) {
    open STDIN, '<', '/dev/null';
    open STDOUT, '>', $out;
    open STDERR, '>', $err;
    exec @command or POSIX::_exit(127);
  }
  waitpid $pid, 0;
  my $status = ($? & 127) ? -1 : $? >> 8;
  return ($status, slurp($out), slurp($err));
}

# A small Standard MIDI File whose note sets it apart.
sub tune {
  my ($format, $note) = @_;
  my $track = pack('C*', 0, 0x90, $note, 64, 0x60, 0x80, $note, 0, 0, 0xFF, 0x2F, 0);
  return 'MThd' . pack('N n n n', 6, $format, 1, 96) . 'MTrk' . pack('N', length $track) . $track;
}

# The tunes to compile: a few of our own, and the packaged real ones where they are installed.
sub tunes_directory {
  my ($with_real) = @_;
  my $dir = "$tmp/tunes";
  mkdir $dir;
  my %tunes = ('Morning' => tune(0, 60), 'Alarm 2' => tune(1, 62), 'x' => tune(0, 64));
  if ($with_real) {
    for my $path (glob "$real_tunes/*.mid") {
      (my $name = basename($path)) =~ s/\.mid$//;
      $tunes{$name} = slurp($path);
    }
  }
  spew("$dir/$_.mid", $tunes{$_}) for keys %tunes;
  return ($dir, \%tunes);
}

sub check_palm_pdb_reads_ours {
  my ($dir, $tunes) = tunes_directory(-d $real_tunes);
  my ($status, $out, $err) = run($carillo, 'compile', $dir, "$tmp/ours.pdb", '--all-formats', '--name', 'Interop Tunes');
  same($status, 0, "compile status ($err)");
  my $pdb = Palm::PDB->new;
  eval { $pdb->Load("$tmp/ours.pdb"); 1 } or return fail("Palm::PDB cannot load our database: $@");
  same($pdb->{name}, 'Interop Tunes', 'name');
  same($pdb->{type}, 'smfr', 'type');
  same($pdb->{creator}, 'Qsnd', 'creator');
  same(join(',', sort grep { $pdb->{attributes}{$_} } keys %{$pdb->{attributes}}), 'Backup,backup', 'attributes');
  same($pdb->{version}, 0, 'version');
  my @records = @{$pdb->{records} || []};
  same(scalar @records, scalar keys %$tunes, 'record count');
  my %seen;
  for my $record (@records) {
    my ($name) = $record->{data} =~ /^PMrc..([^\0]*)\0/s or do { fail('a record without "PMrc" and a name'); next };
    unless (exists $tunes->{$name}) { fail("record '$name' is no tune of ours"); next }
    $seen{$name}++;
    same($record->{data}, 'PMrc' . chr(length($name) + 7) . "\0" . $name . "\0" . $tunes->{$name}, "bytes of '$name'");
    same($record->{category}, 0, "category of '$name'");
    same($record->{id}, 0, "unique ID of '$name'");
    same(join(',', sort grep { $record->{attributes}{$_} } keys %{$record->{attributes}}), 'Dirty,dirty',
         "attributes of '$name'");
  }
  same(scalar keys %seen, scalar keys %$tunes, 'distinct tunes found');
}

sub check_palm_pdb_writes_ours {
  my %tunes = ('First' => tune(0, 60), 'Second one' => tune(1, 61), '' => tune(0, 62),
               'a/b' => tune(0, 63), 'Thirty-one letters long, exactly' => tune(0, 65));
  my @order = ('First', 'Second one', '', 'a/b', 'Thirty-one letters long, exactly');
  my $pdb = Palm::Raw->new;
  $pdb->{name} = 'Written by Palm::PDB';
  $pdb->{type} = 'smfr';
  $pdb->{creator} = 'Qsnd';
  $pdb->{attributes}{backup} = 1;
  for my $name (@order) {
    my $record = $pdb->append_Record;
    $record->{data} = 'PMrc' . chr(length($name) + 7) . "\0" . $name . "\0" . $tunes{$name};
  }
  $pdb->Write("$tmp/theirs.pdb");
  my ($status, $out, $err) = run($carillo, 'extract', "$tmp/theirs.pdb", "$tmp/out", '--yes');
  same($status, 0, 'extract status');
  same($err, '', 'extract messages');
  same($out, scalar(@order) . " MIDI files successfully extracted.\n", 'extract summary');
  for my $name (@order) {
    (my $file = $name) =~ tr{/}{_};
    my $path = "$tmp/out/$file.mid";
    -f $path ? same(slurp($path), $tunes{$name}, "tune of '$name'") : fail("no file for '$name'");
  }
  opendir my $dh, "$tmp/out" or die;
  same(scalar(grep { !/^\.\.?$/ } readdir $dh), scalar @order, 'files extracted');
}

sub flags { my ($set) = @_; return join(',', sort grep { $set->{$_} } keys %{$set || {}}); }
sub tune_record { my ($name, $tune) = @_; return 'PMrc' . chr(length($name) + 7) . "\0$name\0$tune"; }

# A backup of Palm::PDB's own making, edited by add and remove: Palm::PDB finds everything in place.
sub check_palm_pdb_reads_edited {
  my $pdb = Palm::Raw->new;
  @$pdb{qw(name type creator appinfo uniqueIDseed)} = ('System MIDI Sounds', 'smfr', 'psys', "info\0\1\2", 0x123000);
  $pdb->{attributes}{backup} = 1;
  my @tunes = (['Alarm', tune(0, 60)], ['Bells', tune(0, 61)], ['Chime', tune(0, 62)], ['Drum', tune(0, 71)]);
  for my $i (0 .. 2) {
    my $record = $pdb->append_Record;
    @$record{qw(data id category)} = (tune_record(@{$tunes[$i]}), (0x00A001, 0x00A00F, 0x00A002)[$i], $i + 1);
    $record->{attributes}{private} = $i == 1;
  }
  $pdb->Write("$tmp/backup.pdb");
  (my $original = Palm::PDB->new)->Load("$tmp/backup.pdb");
  mkdir "$tmp/new";
  $tunes[1][1] = tune(0, 70);  # Bells comes back as another tune; Drum is new
  spew("$tmp/new/$$_[0].mid", $$_[1]) for @tunes[1, 3];
  my ($added, undef, $add_err) = run($carillo, 'add', "$tmp/backup.pdb", "$tmp/new", '--yes');
  my ($removed, undef, $remove_err) = run($carillo, 'remove', "$tmp/backup.pdb", 'Alarm', '--output', "$tmp/removed.pdb");
  same("$added $removed", '0 0', "add and remove status ($add_err$remove_err)");
  for my $case (['backup.pdb', 1, 0, 1, 2, 3], ['removed.pdb', 2, 1, 2, 3]) {
    my ($file, $edits, @kept) = @$case;
    my $edited = Palm::PDB->new;
    eval { $edited->Load("$tmp/$file"); 1 } or do { fail("Palm::PDB cannot load $file: $@"); next };
    same($edited->{$_}, $original->{$_}, "$file: $_") for qw(name type creator version ctime appinfo);
    # Drum took the seed's ID, and the seed moved past it; remove leaves it there.
    same($edited->{uniqueIDseed}, $original->{uniqueIDseed} + 1, "$file: unique ID seed");
    same($edited->{modnum}, $original->{modnum} + $edits, "$file: modification number");
    same(scalar @{$edited->{records}}, scalar @kept, "$file: record count");
    for my $at (0 .. $#{$edited->{records}}) {
      my ($got, $was, $name) = ($edited->{records}[$at], $original->{records}[$kept[$at]], $tunes[$kept[$at]][0]);
      same($got->{data}, tune_record(@{$tunes[$kept[$at]]}), "$file: bytes of '$name'");
      same($got->{id}, $was ? $was->{id} : $original->{uniqueIDseed}, "$file: unique ID of '$name'");
      same($got->{category}, $was ? $was->{category} : 0, "$file: category of '$name'");
      same(flags($got->{attributes}), $was ? flags($was->{attributes}) : 'Dirty,dirty', "$file: attributes of '$name'");
    }
  }
}

sub check_doc_database_has_no_tunes {
  spew("$tmp/text.txt", "Not a tune.\n" x 400);
  my ($made) = run('txt2pdbdoc', 'A text', "$tmp/text.txt", "$tmp/text.pdb");
  same($made, 0, 'txt2pdbdoc status');
  my ($status, $out, $err) = run($carillo, 'extract', "$tmp/text.pdb", "$tmp/out", '--yes');
  same($status, 1, 'extract status');
  same($out, '', 'extract output');
  same($err, "carillo: $tmp/text.pdb: No MIDI files found in the database!\n", 'extract messages');
}

sub check_midicsv_reads_every_extracted_tune {
  return 77 unless -d $real_tunes;
  my ($dir, $tunes) = tunes_directory(1);
  my ($compiled, undef, $compile_err) = run($carillo, 'compile', $dir, "$tmp/real.pdb", '--all-formats', '--quiet');
  same($compiled, 0, "compile status ($compile_err)");
  my ($status, $out, $err) = run($carillo, 'extract', "$tmp/real.pdb", "$tmp/out", '--yes', '--quiet');
  same($status, 0, "extract status ($err)");
  my @files = glob "$tmp/out/*.mid";
  same(scalar @files, scalar keys %$tunes, 'tunes extracted');
  for my $file (@files) {
    my ($read, $csv, $words) = run('midicsv', $file);
    same($read, 0, "midicsv status for $file");
    same($words, '', "midicsv on standard error for $file");
    fail("midicsv found no end of file in $file") unless $csv =~ /^0, 0, End_of_file\s*\z/m;
  }
}

my %checks = (
  palm_pdb_reads_ours => \&check_palm_pdb_reads_ours,
  palm_pdb_writes_ours => \&check_palm_pdb_writes_ours,
  palm_pdb_reads_edited => \&check_palm_pdb_reads_edited,
  doc_database_has_no_tunes => \&check_doc_database_has_no_tunes,
  midicsv_reads_every_extracted_tune => \&check_midicsv_reads_every_extracted_tune,
);
my $code = $checks{$check} or die "unknown check '$check'\n";
my $result = $code->();
exit 77 if defined $result && $result eq '77' && !$failures;
print "$check: ", ($failures ? "$failures failures" : 'passed'), "\n";
exit($failures ? 1 : 0);
